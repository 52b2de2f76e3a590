// The process-wide fault filter: synchronous faults and aborts of any thread
// reach one handler, on an alternate signal stack, with the fault described
// in Windows exception terms (codes, the faulting instruction's address, the
// kernel thread id) and the register set of the interrupted context.
//
// Installed for SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP and SIGABRT with
// SA_SIGINFO | SA_ONSTACK; the previous actions come back on removal. Each
// thread needs its own alternate stack to survive a stack overflow: the
// installing thread gets one, and threads started through _beginthread get
// theirs when they start (EnsureSignalStack).
//
// When the handler returns, the default action is restored and the signal
// raised again, so the process ends by its signal. A second fault while the
// handler runs (a fault in the report itself) does the same at once.
//
// Limits: registers are those of x86-64 (zero elsewhere); the handler does
// far more than is async-signal-safe (formatting, files, message boxes),
// which is accepted for a process that is about to end.
#pragma once

#include <cstdint>

namespace Platform {

// Exception codes the handler reports.
constexpr std::uint32_t kCodeAccessViolation = 0xC0000005;
constexpr std::uint32_t kCodeInPageError = 0xC0000006;
constexpr std::uint32_t kCodeMisalignment = 0x80000002;
constexpr std::uint32_t kCodeBreakpoint = 0x80000003;
constexpr std::uint32_t kCodeIllegalInstruction = 0xC000001D;
constexpr std::uint32_t kCodePrivilegedInstruction = 0xC0000096;
constexpr std::uint32_t kCodeStackOverflow = 0xC00000FD;
constexpr std::uint32_t kCodeFloatDivideByZero = 0xC000008E;
constexpr std::uint32_t kCodeFloatInexact = 0xC000008F;
constexpr std::uint32_t kCodeFloatInvalid = 0xC0000090;
constexpr std::uint32_t kCodeFloatOverflow = 0xC0000091;
constexpr std::uint32_t kCodeFloatUnderflow = 0xC0000093;
constexpr std::uint32_t kCodeIntegerDivideByZero = 0xC0000094;
constexpr std::uint32_t kCodeIntegerOverflow = 0xC0000095;
constexpr std::uint32_t kCodeAbort = 0xE0000006;

// The interrupted context, in the names of x86-64.
struct FaultRegisters {
  std::uint64_t rax = 0, rbx = 0, rcx = 0, rdx = 0, rsi = 0, rdi = 0;
  std::uint64_t rip = 0, rsp = 0, rbp = 0;
  std::uint16_t cs = 0, ss = 0, ds = 0, es = 0, fs = 0, gs = 0;
  std::uint32_t flags = 0;
};

struct FaultInfo {
  std::uint32_t code = 0;
  std::uintptr_t address = 0;  // the faulting instruction
  std::uint32_t threadId = 0;  // the kernel's thread id
  int signal = 0;
  FaultRegisters registers;
  // The faulting thread's stack, [stackLow, stackHigh); both 0 when unknown.
  std::uintptr_t stackLow = 0;
  std::uintptr_t stackHigh = 0;
};

using FaultHandler = void (*)(const FaultInfo& fault);

// Installs the handler for the six signals and gives the calling thread an
// alternate stack. False when a signal action could not be set.
bool InstallFaultFilter(FaultHandler handler);
// Puts the actions that were in place back.
void RemoveFaultFilter();

// Gives the calling thread an alternate signal stack, once.
void EnsureSignalStack();

// The calling thread's stack, [low, high), and the size of the guard area
// below it. False when unknown.
bool CurrentThreadStack(std::uintptr_t* low, std::uintptr_t* high, std::uintptr_t* guardSize);

// The exception code of a signal. `faultAddress` is the data address of the
// fault (si_addr); a SIGSEGV within the guard area [guardLow, stackLow)
// below the thread's stack is a stack overflow.
std::uint32_t ExceptionCodeForSignal(int signal, int signalCode, std::uintptr_t faultAddress, std::uintptr_t guardLow,
                                     std::uintptr_t stackLow);

}  // namespace Platform
