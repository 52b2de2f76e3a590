// A Direct3D device for tests that records what the renderer asks of it.
//
// RecordingDevice wraps the renderer's real (software) device: every call is
// forwarded, so the frame is still drawn, and the calls that describe a draw
// are kept in order: DrawPrimitive with its vertices decoded from the three
// vertex formats the renderer uses (0x1C4, 0x244, 0x242), SetTexture,
// SetTextureStageState, SetRenderState, BeginScene, EndScene, SetTransform.
// A chosen call can be made to fail (every one of a kind, or the n-th from
// now); a failed call is recorded with its code and not forwarded, so tests
// read the call name the renderer reported from gLastDirectXError.
//
// Use: after the renderer's Init, a ScopedRecorder puts the recorder in
// place of renderer.device and puts the real device back when it goes out of
// scope (before the display is torn down).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/D3DInterface.h"
#include "platform/devices/D3D.h"
#include "platform/devices/DirectXCodes.h"

namespace Recording {

enum class Call {
  kDrawPrimitive,
  kSetTexture,
  kSetTextureStageState,
  kSetRenderState,
  kBeginScene,
  kEndScene,
  kSetTransform,
};

const char* CallName(Call call);

// A vertex of any of the three formats, fields the format lacks left 0
// (rhw 0 for the untransformed format, u1 and v1 0 for 0x1C4).
struct Vertex {
  float x = 0, y = 0, z = 0, rhw = 0;
  uint32_t colour = 0;
  float u0 = 0, v0 = 0, u1 = 0, v1 = 0;
};

struct Record {
  Call call = Call::kDrawPrimitive;
  HRESULT result = 0;
  // DrawPrimitive
  D3DPRIMITIVETYPE primitive = D3DPT_POINTLIST;
  DWORD format = 0;
  std::vector<Vertex> vertices;  // empty for a format it cannot decode
  // SetTexture and SetTextureStageState
  DWORD stage = 0;
  IDirectDrawSurface7* texture = nullptr;
  // SetTextureStageState, SetRenderState: the state and its value;
  // SetTransform: the transform type in state.
  DWORD state = 0;
  DWORD value = 0;
  D3DMATRIX matrix{};
};

std::string Describe(const Record& record);

class RecordingDevice : public IDirect3DDevice7 {
 public:
  explicit RecordingDevice(IDirect3DDevice7* inner) : inner(inner) {}
  RecordingDevice(const RecordingDevice&) = delete;
  RecordingDevice& operator=(const RecordingDevice&) = delete;
  virtual ~RecordingDevice() = default;

  IDirect3DDevice7* const inner;
  std::vector<Record> records;

  // Fails the nth call of the kind counted from now (1 is the next one), or
  // every call of the kind when nth is 0, with the given code.
  void Fail(Call call, int nth = 0, HRESULT code = DDERR_GENERIC);
  void ClearFaults() { faults_.clear(); }
  // Forgets the records (the faults stay).
  void Clear() { records.clear(); }

  std::vector<Record> Of(Call call) const;
  std::vector<Record> Draws() const { return Of(Call::kDrawPrimitive); }
  int Count(Call call) const;
  // Every record, one line each, for failure messages.
  std::string Dump() const;

  HRESULT QueryInterface(REFIID iid, void** out) override { return inner->QueryInterface(iid, out); }
  ULONG AddRef() override { return inner->AddRef(); }
  ULONG Release() override { return inner->Release(); }
  HRESULT GetCaps(D3DDEVICEDESC7* desc) override { return inner->GetCaps(desc); }
  HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override {
    return inner->EnumTextureFormats(callback, context);
  }
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags, DWORD color, float z, DWORD stencil) override {
    return inner->Clear(count, rects, flags, color, z, stencil);
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override {
    return inner->GetTransform(type, matrix);
  }
  HRESULT SetViewport(D3DVIEWPORT7* viewport) override { return inner->SetViewport(viewport); }
  HRESULT GetViewport(D3DVIEWPORT7* viewport) override { return inner->GetViewport(viewport); }
  HRESULT SetRenderState(D3DRENDERSTATETYPE type, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE type, DWORD* value) override { return inner->GetRenderState(type, value); }
  HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture) override;
  HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** texture) override { return inner->GetTexture(stage, texture); }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override {
    return inner->GetTextureStageState(stage, type, value);
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, void* vertices, DWORD count, DWORD flags) override;
  HRESULT SetRenderTarget(IDirectDrawSurface7* target, DWORD flags) override {
    return inner->SetRenderTarget(target, flags);
  }
  HRESULT GetRenderTarget(IDirectDrawSurface7** target) override { return inner->GetRenderTarget(target); }

 private:
  struct Fault {
    Call call;
    bool every;
    int remaining;  // calls of the kind still to pass before the one that fails
    HRESULT code;
  };
  std::vector<Fault> faults_;

  // The injected code for this call (and counts it), or 0.
  HRESULT InjectedFailure(Call call);
  // Records the call; forwards it unless a failure is injected.
  template <typename Forward>
  HRESULT Pass(Record record, Forward forward) {
    const HRESULT injected = InjectedFailure(record.call);
    record.result = injected != 0 ? injected : forward();
    records.push_back(std::move(record));
    return records.back().result;
  }
};

// Puts a recorder in place of the renderer's device for its lifetime.
class ScopedRecorder {
 public:
  explicit ScopedRecorder(Kivo::D3DInterface& renderer) : device(renderer.device), renderer_(renderer) {
    renderer_.device = &device;
  }
  ~ScopedRecorder() {
    // A renderer that released its device meanwhile released the real one
    // through the recorder; there is nothing to put back then.
    if (renderer_.device == &device) renderer_.device = device.inner;
  }
  ScopedRecorder(const ScopedRecorder&) = delete;
  ScopedRecorder& operator=(const ScopedRecorder&) = delete;

  RecordingDevice device;

 private:
  Kivo::D3DInterface& renderer_;
};

}  // namespace Recording
