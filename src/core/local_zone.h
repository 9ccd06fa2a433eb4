#pragma once

// The C library works out local times (every date the database drivers and the record
// sets read) by the zone named in TZ; with TZ unset it looks at the system's zone file
// on the disk at every single conversion, a system call per date read. Naming the
// system's zone file in TZ once, before any date is read, gives the same zone without
// those calls. Does nothing when TZ is set already, or on Windows.
namespace localzone {
void pin();
}
