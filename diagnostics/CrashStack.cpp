// Placing addresses in modules and walking the faulting thread's stack.
#include <cxxabi.h>
#include <dlfcn.h>
#include <link.h>
#include <unwind.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "diagnostics/CrashFormat.h"
#include "diagnostics/CrashReporter.h"
#include "platform/Process.h"

namespace Kivo {

namespace {

constexpr size_t kMaxFrames = 256;

struct PlaceQuery {
  std::uintptr_t address = 0;
  bool found = false;
  std::string module;
  int section = 0;
  std::uintptr_t offset = 0;
};

int PlaceInModule(dl_phdr_info* info, size_t, void* data) {
  auto* query = static_cast<PlaceQuery*>(data);
  int loadIndex = 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type != PT_LOAD) continue;
    std::uintptr_t start = info->dlpi_addr + header.p_vaddr;
    if (query->address >= start && query->address - start < header.p_memsz) {
      query->found = true;
      query->module = info->dlpi_name != nullptr ? info->dlpi_name : "";
      query->section = loadIndex + 1;
      query->offset = query->address - start;
      return 1;
    }
    ++loadIndex;
  }
  return 0;
}

// Stack words are read where the sanitizer may have poisoned a neighbour's
// locals; the caller has checked that they lie in the thread's stack.
__attribute__((no_sanitize("address"))) std::uintptr_t ReadStackWord(std::uintptr_t at) {
  return *reinterpret_cast<const std::uintptr_t*>(at);
}

bool InRange(std::uintptr_t at, std::uintptr_t bytes, std::uintptr_t low, std::uintptr_t high) {
  return low < high && at >= low && at <= high && high - at >= bytes;
}

struct UnwoundFrame {
  std::uintptr_t pc = 0;
  std::uintptr_t frame = 0;
};

_Unwind_Reason_Code CollectFrame(_Unwind_Context* context, void* data) {
  auto* frames = static_cast<std::vector<UnwoundFrame>*>(data);
  if (frames->size() >= kMaxFrames) return _URC_END_OF_STACK;
  int beforeInstruction = 0;
  std::uintptr_t pc = _Unwind_GetIPInfo(context, &beforeInstruction);
  if (pc == 0) return _URC_END_OF_STACK;
  frames->push_back({pc, static_cast<std::uintptr_t>(_Unwind_GetCFA(context))});
  return _URC_NO_REASON;
}

std::string PlacedFrameText(std::uintptr_t pc) {
  std::string module;
  int section = 0;
  std::uintptr_t offset = 0;
  CrashReporter::LogicalAddress(pc, &module, &section, &offset);
  return FormatCrashText("%04X:%08llX %s", section, WideAddress(offset), PathBaseName(module).c_str());
}

}  // namespace

bool CrashReporter::LogicalAddress(std::uintptr_t address, std::string* modulePath, int* section,
                                   std::uintptr_t* offset) {
  PlaceQuery query;
  query.address = address;
  dl_iterate_phdr(&PlaceInModule, &query);
  if (!query.found) return false;
  // The program itself has no name in the loader's list.
  *modulePath = query.module.empty() ? Platform::ExecutablePath() : query.module;
  *section = query.section;
  *offset = query.offset;
  return true;
}

std::string CrashReporter::WalkFramesWithImageHelp(const Platform::FaultInfo& fault, int skip) {
  std::vector<UnwoundFrame> frames;
  frames.reserve(kMaxFrames);
  _Unwind_Backtrace(&CollectFrame, &frames);
  // The walk starts in the handler; the faulting frame is where the
  // interrupted instruction is.
  size_t first = 0;
  while (first < frames.size() && frames[first].pc != fault.address) ++first;
  if (first == frames.size()) return std::string();

  std::string text;
  for (size_t i = first; i < frames.size(); ++i) {
    const UnwoundFrame& f = frames[i];
    if (skip > 0) {
      --skip;
      continue;
    }
    Dl_info symbol{};
    if (dladdr(reinterpret_cast<void*>(f.pc), &symbol) != 0 && symbol.dli_sname != nullptr) {
      int status = 0;
      char* readable = abi::__cxa_demangle(symbol.dli_sname, nullptr, nullptr, &status);
      std::string name = status == 0 && readable != nullptr ? readable : symbol.dli_sname;
      std::free(readable);
      std::uintptr_t displacement = f.pc - reinterpret_cast<std::uintptr_t>(symbol.dli_saddr);
      text += FormatCrashText("%08llX %08llX %s+%llX\r\n", WideAddress(f.frame), WideAddress(f.pc), name.c_str(),
                              WideAddress(displacement));
    } else {
      text += FormatCrashText("%08llX %08llX %s\r\n", WideAddress(f.frame), WideAddress(f.pc),
                              PlacedFrameText(f.pc).c_str());
    }
    std::uintptr_t params[4] = {};
    for (int k = 0; k < 4; ++k) {
      std::uintptr_t at = f.frame + static_cast<std::uintptr_t>(k) * sizeof(std::uintptr_t);
      if (InRange(at, sizeof(std::uintptr_t), fault.stackLow, fault.stackHigh)) params[k] = ReadStackWord(at);
    }
    text += FormatCrashText("Params: %08llX %08llX %08llX %08llX\r\n", WideAddress(params[0]), WideAddress(params[1]),
                            WideAddress(params[2]), WideAddress(params[3]));
    text += "\r\n";
  }
  return text;
}

std::string CrashReporter::WalkFramesManually(const Platform::FaultInfo& fault, int) {
  return WalkFrameChain(static_cast<std::uintptr_t>(fault.registers.rip),
                        static_cast<std::uintptr_t>(fault.registers.rbp), fault.stackLow, fault.stackHigh);
}

std::string CrashReporter::WalkFrameChain(std::uintptr_t pc, std::uintptr_t frame, std::uintptr_t stackLow,
                                          std::uintptr_t stackHigh) {
  constexpr std::uintptr_t kWord = sizeof(std::uintptr_t);
  std::string text;
  for (;;) {
    text += FormatCrashText("%08llX  %08llX  %s\r\n", WideAddress(pc), WideAddress(frame), PlacedFrameText(pc).c_str());
    // A frame holds the caller's frame pointer and the return address.
    if (frame % kWord != 0 || !InRange(frame, 2 * kWord, stackLow, stackHigh)) break;
    std::uintptr_t nextPc = ReadStackWord(frame + kWord);
    std::uintptr_t nextFrame = ReadStackWord(frame);
    if (nextFrame % kWord != 0 || nextFrame <= frame || !InRange(nextFrame, 2 * kWord, stackLow, stackHigh)) break;
    pc = nextPc;
    frame = nextFrame;
  }
  return text;
}

}  // namespace Kivo
