// The recording test device (see recording_device.h).
#include "tests/display/recording_device.h"

#include <cstdio>
#include <cstring>

namespace Recording {

const char* CallName(Call call) {
  switch (call) {
    case Call::kDrawPrimitive: return "DrawPrimitive";
    case Call::kSetTexture: return "SetTexture";
    case Call::kSetTextureStageState: return "SetTextureStageState";
    case Call::kSetRenderState: return "SetRenderState";
    case Call::kBeginScene: return "BeginScene";
    case Call::kEndScene: return "EndScene";
    case Call::kSetTransform: return "SetTransform";
  }
  return "?";
}

namespace {

constexpr DWORD kFormatTL = D3DFVF_TLVERTEX;                                // 0x1C4
constexpr DWORD kFormatTL2 = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2;  // 0x244
constexpr DWORD kFormat3D = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;      // 0x242

std::vector<Vertex> Decode(DWORD format, const void* data, DWORD count) {
  std::vector<Vertex> out;
  if (data == nullptr) return out;
  for (DWORD i = 0; i < count; ++i) {
    Vertex v;
    if (format == kFormatTL) {
      D3DTLVERTEX t;
      std::memcpy(&t, static_cast<const char*>(data) + i * sizeof(t), sizeof(t));
      v = Vertex{t.sx, t.sy, t.sz, t.rhw, t.color, t.tu, t.tv, 0, 0};
    } else if (format == kFormatTL2) {
      D3DTLVERTEX2 t;
      std::memcpy(&t, static_cast<const char*>(data) + i * sizeof(t), sizeof(t));
      v = Vertex{t.sx, t.sy, t.sz, t.rhw, t.color, t.tu0, t.tv0, t.tu1, t.tv1};
    } else if (format == kFormat3D) {
      D3DVERTEX3D2 t;
      std::memcpy(&t, static_cast<const char*>(data) + i * sizeof(t), sizeof(t));
      v = Vertex{t.x, t.y, t.z, 0, t.color, t.tu0, t.tv0, t.tu1, t.tv1};
    } else {
      return {};
    }
    out.push_back(v);
  }
  return out;
}

}  // namespace

std::string Describe(const Record& r) {
  char line[160];
  switch (r.call) {
    case Call::kDrawPrimitive:
      std::snprintf(line, sizeof(line), "DrawPrimitive type %u format 0x%X vertices %zu",
                    static_cast<unsigned>(r.primitive), static_cast<unsigned>(r.format), r.vertices.size());
      break;
    case Call::kSetTexture:
      std::snprintf(line, sizeof(line), "SetTexture stage %u %s", static_cast<unsigned>(r.stage),
                    r.texture != nullptr ? "texture" : "null");
      break;
    case Call::kSetTextureStageState:
      std::snprintf(line, sizeof(line), "SetTextureStageState stage %u state %u value %u",
                    static_cast<unsigned>(r.stage), static_cast<unsigned>(r.state), static_cast<unsigned>(r.value));
      break;
    case Call::kSetRenderState:
      std::snprintf(line, sizeof(line), "SetRenderState %u value %u", static_cast<unsigned>(r.state),
                    static_cast<unsigned>(r.value));
      break;
    case Call::kSetTransform:
      std::snprintf(line, sizeof(line), "SetTransform %u", static_cast<unsigned>(r.state));
      break;
    default: std::snprintf(line, sizeof(line), "%s", CallName(r.call)); break;
  }
  std::string text = line;
  if (r.result != 0) text += " (failed)";
  return text;
}

void RecordingDevice::Fail(Call call, int nth, HRESULT code) {
  faults_.push_back(Fault{call, nth <= 0, nth - 1, code});
}

HRESULT RecordingDevice::InjectedFailure(Call call) {
  HRESULT code = 0;
  for (Fault& f : faults_) {
    if (f.call != call) continue;
    if (f.every || f.remaining == 0) code = f.code;
    if (!f.every) --f.remaining;
  }
  return code;
}

std::vector<Record> RecordingDevice::Of(Call call) const {
  std::vector<Record> out;
  for (const Record& r : records)
    if (r.call == call) out.push_back(r);
  return out;
}

int RecordingDevice::Count(Call call) const {
  int n = 0;
  for (const Record& r : records) n += r.call == call;
  return n;
}

std::string RecordingDevice::Dump() const {
  std::string text;
  for (const Record& r : records) text += Describe(r) + "\n";
  return text;
}

HRESULT RecordingDevice::BeginScene() {
  Record r;
  r.call = Call::kBeginScene;
  return Pass(r, [&] { return inner->BeginScene(); });
}

HRESULT RecordingDevice::EndScene() {
  Record r;
  r.call = Call::kEndScene;
  return Pass(r, [&] { return inner->EndScene(); });
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) {
  Record r;
  r.call = Call::kSetTransform;
  r.state = type;
  if (matrix != nullptr) r.matrix = *matrix;
  return Pass(r, [&] { return inner->SetTransform(type, matrix); });
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
  Record r;
  r.call = Call::kSetRenderState;
  r.state = type;
  r.value = value;
  return Pass(r, [&] { return inner->SetRenderState(type, value); });
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirectDrawSurface7* texture) {
  Record r;
  r.call = Call::kSetTexture;
  r.stage = stage;
  r.texture = texture;
  return Pass(r, [&] { return inner->SetTexture(stage, texture); });
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  Record r;
  r.call = Call::kSetTextureStageState;
  r.stage = stage;
  r.state = type;
  r.value = value;
  return Pass(r, [&] { return inner->SetTextureStageState(stage, type, value); });
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, void* vertices, DWORD count,
                                       DWORD flags) {
  Record r;
  r.call = Call::kDrawPrimitive;
  r.primitive = type;
  r.format = vertexFormat;
  r.vertices = Decode(vertexFormat, vertices, count);
  return Pass(r, [&] { return inner->DrawPrimitive(type, vertexFormat, vertices, count, flags); });
}

}  // namespace Recording
