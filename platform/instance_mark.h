#pragma once
// The mark of a running instance: a lock file in the runtime folder, held with flock() for as
// long as the process lives. The kernel drops the lock when the process ends in any way
// (exit, crash, kill), so a stale file never blocks the next start, and taking the lock is one
// atomic step, so of two processes started at the same moment exactly one holds the mark.
#include <string_view>

namespace brisklet::platform {

// True when this process now holds the mark `name` (GBK; any bytes: the file name is built
// from its hexadecimal form, so no name can reach outside the runtime folder), including when
// it already held it. False when another process holds it. True also when no mark can be
// made at all (no writable runtime folder): the program then runs unguarded rather than not
// at all. Any thread; the mark lives until the process ends.
bool TryAcquireInstanceMark(std::string_view name);

}  // namespace brisklet::platform
