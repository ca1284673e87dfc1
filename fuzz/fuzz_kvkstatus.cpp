// The vacuum/door controller's status datagrams, as a sequence.

#include "vacuumstatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzVacuumStatus<KvkStatusPacket>(data, size, VacuumStatus::kvkFields());
}
