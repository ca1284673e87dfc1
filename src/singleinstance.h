#pragma once

// Takes the console's single-instance lock: a record lock on the first byte of the lock file
// ("/var/tmp/.poKAVRO_lock" through FixedPaths). True when this process now holds it; false when
// another process holds it or the file cannot be opened. The descriptor is never closed, so the
// lock lasts exactly as long as the process and the system releases it however the process ends.
bool checkSingleInstance();
