// The fault filter over POSIX signals.
#include "platform/CrashSignals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace Platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
// The report is formatted, saved and shown on this stack (sanitizer builds
// use much more stack than plain ones).
constexpr std::size_t kSignalStackBytes = 1 << 20;

std::atomic<FaultHandler> gHandler{nullptr};
struct sigaction gPrevious[kSignalCount];
bool gInstalled = false;
std::atomic<bool> gHandling{false};

// The thread's alternate stack, released when the thread ends.
struct SignalStack {
  void* memory = nullptr;
  ~SignalStack() {
    if (memory == nullptr) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    munmap(memory, kSignalStackBytes);
  }
};
thread_local SignalStack tSignalStack;

void EndBySignal(int signal) {
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  // Still blocked inside the handler: delivered, with its default action,
  // as soon as the handler returns.
  raise(signal);
}

void ReadRegisters(const void* context, FaultRegisters* out) {
#if defined(__x86_64__)
  const mcontext_t& m = static_cast<const ucontext_t*>(context)->uc_mcontext;
  out->rax = static_cast<std::uint64_t>(m.gregs[REG_RAX]);
  out->rbx = static_cast<std::uint64_t>(m.gregs[REG_RBX]);
  out->rcx = static_cast<std::uint64_t>(m.gregs[REG_RCX]);
  out->rdx = static_cast<std::uint64_t>(m.gregs[REG_RDX]);
  out->rsi = static_cast<std::uint64_t>(m.gregs[REG_RSI]);
  out->rdi = static_cast<std::uint64_t>(m.gregs[REG_RDI]);
  out->rip = static_cast<std::uint64_t>(m.gregs[REG_RIP]);
  out->rsp = static_cast<std::uint64_t>(m.gregs[REG_RSP]);
  out->rbp = static_cast<std::uint64_t>(m.gregs[REG_RBP]);
  out->flags = static_cast<std::uint32_t>(m.gregs[REG_EFL]);
  // cs, gs and fs share one word, 16 bits each; ss, ds and es are not kept.
  auto segments = static_cast<std::uint64_t>(m.gregs[REG_CSGSFS]);
  out->cs = static_cast<std::uint16_t>(segments);
  out->gs = static_cast<std::uint16_t>(segments >> 16);
  out->fs = static_cast<std::uint16_t>(segments >> 32);
#else
  (void)context;
  (void)out;
#endif
}

void OnSignal(int signal, siginfo_t* info, void* context) {
  FaultHandler handler = gHandler.load();
  if (handler == nullptr || gHandling.exchange(true)) {
    EndBySignal(signal);
    return;
  }
  FaultInfo fault;
  fault.signal = signal;
  fault.threadId = static_cast<std::uint32_t>(::syscall(SYS_gettid));
  ReadRegisters(context, &fault.registers);
  fault.address = static_cast<std::uintptr_t>(fault.registers.rip);
  std::uintptr_t guard = 0;
  CurrentThreadStack(&fault.stackLow, &fault.stackHigh, &guard);
  std::uintptr_t guardLow = fault.stackLow > guard ? fault.stackLow - guard : 0;
  fault.code = ExceptionCodeForSignal(signal, info != nullptr ? info->si_code : 0,
                                      info != nullptr ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0, guardLow,
                                      fault.stackLow);
  // A fault inside the report lands in the branch above and ends the
  // process by that signal.
  handler(fault);
  EndBySignal(signal);
}

}  // namespace

std::uint32_t ExceptionCodeForSignal(int signal, int signalCode, std::uintptr_t faultAddress, std::uintptr_t guardLow,
                                     std::uintptr_t stackLow) {
  switch (signal) {
    case SIGSEGV:
      return faultAddress >= guardLow && faultAddress < stackLow ? kCodeStackOverflow : kCodeAccessViolation;
    case SIGBUS: return signalCode == BUS_ADRALN ? kCodeMisalignment : kCodeInPageError;
    case SIGFPE:
      switch (signalCode) {
        case FPE_INTDIV: return kCodeIntegerDivideByZero;
        case FPE_INTOVF: return kCodeIntegerOverflow;
        case FPE_FLTDIV: return kCodeFloatDivideByZero;
        case FPE_FLTOVF: return kCodeFloatOverflow;
        case FPE_FLTUND: return kCodeFloatUnderflow;
        case FPE_FLTRES: return kCodeFloatInexact;
        default: return kCodeFloatInvalid;
      }
    case SIGILL: return signalCode == ILL_PRVOPC ? kCodePrivilegedInstruction : kCodeIllegalInstruction;
    case SIGTRAP: return kCodeBreakpoint;
    default: return kCodeAbort;
  }
}

bool CurrentThreadStack(std::uintptr_t* low, std::uintptr_t* high, std::uintptr_t* guardSize) {
  *low = *high = *guardSize = 0;
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return false;
  void* base = nullptr;
  std::size_t size = 0, guard = 0;
  bool ok = pthread_attr_getstack(&attributes, &base, &size) == 0;
  pthread_attr_getguardsize(&attributes, &guard);
  pthread_attr_destroy(&attributes);
  if (!ok) return false;
  std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  *low = reinterpret_cast<std::uintptr_t>(base);
  *high = *low + size;
  // The main thread reports no guard; the kernel keeps at least a page free.
  *guardSize = guard > page ? guard : page;
  return true;
}

void EnsureSignalStack() {
  if (tSignalStack.memory != nullptr) return;
  void* memory = mmap(nullptr, kSignalStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = kSignalStackBytes;
  if (sigaltstack(&stack, nullptr) != 0) {
    munmap(memory, kSignalStackBytes);
    return;
  }
  tSignalStack.memory = memory;
}

bool InstallFaultFilter(FaultHandler handler) {
  EnsureSignalStack();
  gHandler = handler;
  if (gInstalled) return true;
  bool ok = true;
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction action {};
    action.sa_sigaction = &OnSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    if (sigaction(kSignals[i], &action, &gPrevious[i]) != 0) {
      ok = false;
      std::memset(&gPrevious[i], 0, sizeof gPrevious[i]);
      gPrevious[i].sa_handler = SIG_DFL;
    }
  }
  gInstalled = true;
  return ok;
}

void RemoveFaultFilter() {
  if (!gInstalled) return;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
  gInstalled = false;
  gHandler = nullptr;
}

}  // namespace Platform
