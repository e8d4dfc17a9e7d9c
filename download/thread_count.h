#pragma once
// The thread count the engines actually use. The settings file holds whatever was typed; a
// count of 0, a negative count or a text without digits means "not set" (32), and counts
// above kThreadCeiling are lowered to it: beyond that more connections only add load on the
// server and threads on this machine, never speed.
namespace brisklet::download {

inline constexpr int kDefaultThreads = 32;
inline constexpr int kThreadCeiling = 128;

int UsableThreadCount(long long requested);

}  // namespace brisklet::download
