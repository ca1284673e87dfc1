// The vacuum-system controller's status datagrams, as a sequence.

#include "vacuumstatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzVacuumStatus<KvsStatusPacket>(data, size, VacuumStatus::kvsFields());
}
