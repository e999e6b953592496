#pragma once

namespace zelvora {

// Called first thing in main, before any secret exists. The process's memory
// holds private keys and plaintext, so a crash writes no core file, and no
// other process of the same user may read that memory through ptrace or
// /proc/PID/mem (which also makes /proc/PID/* belong to root). Both are best
// effort: a refusal leaves the program working.
void HardenProcess() noexcept;

}  // namespace zelvora
