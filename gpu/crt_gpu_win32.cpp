#include "gpu/crt_gpu_win32.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "gpu/com_release_win32.h"
#include "gpu/crt_shader_dxbc.h"
#include "gpu/gpu_hooks.h"
#include "gpu/presenter_win32.h"

namespace {

struct BufferRecord {
  ID3D11Buffer* buffer;
  ID3D11ShaderResourceView* srv;
  ID3D11UnorderedAccessView* uav;
  uint32_t size;
};

enum ViewKind { kTypedViews, kTypedReadOnly, kRawReadOnly, kStaging };

struct CrtGpu {
  ID3D11ComputeShader* shader;
  ID3D11Buffer* params;
  BufferRecord work[4];  // X0, X1, Y0, Y1
  BufferRecord maps, result, resultStaging, chroma, palette, indexed, persistence, persistenceStaging;
  uint8_t* upload;
  uint32_t uploadSize;
  int mapsUploaded;
  uint32_t mapsVersion;
  int failed;
  int status;
  HRESULT lastError;
  const uint8_t* shaderBlob;
  size_t shaderSize;
};

CrtGpu g_gpu = {};

void release_record(BufferRecord& r) {
  com_release(r.uav);
  com_release(r.srv);
  com_release(r.buffer);
  r.size = 0;
}

// Makes r a buffer of `size` bytes with the views of its kind, unless it has that
// size already. Sets *recreated when it made a new one.
HRESULT ensure_record(ID3D11Device* device, BufferRecord& r, uint32_t size, ViewKind kind,
                      bool* recreated = nullptr) {
  if (r.buffer && r.size == size) return S_OK;
  release_record(r);
  if (recreated) *recreated = true;
  D3D11_BUFFER_DESC desc = {};
  desc.ByteWidth = size;
  if (kind == kStaging) {
    desc.Usage = D3D11_USAGE_STAGING;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  } else {
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE | (kind == kTypedViews ? D3D11_BIND_UNORDERED_ACCESS : 0);
    if (kind == kRawReadOnly) desc.MiscFlags = D3D11_RESOURCE_MISC_BUFFER_ALLOW_RAW_VIEWS;
  }
  HRESULT hr = device->CreateBuffer(&desc, nullptr, &r.buffer);
  if (SUCCEEDED(hr) && kind != kStaging) {
    D3D11_SHADER_RESOURCE_VIEW_DESC view = {};
    view.Format = kind == kRawReadOnly ? DXGI_FORMAT_R32_TYPELESS : DXGI_FORMAT_R32_UINT;
    view.ViewDimension = D3D11_SRV_DIMENSION_BUFFEREX;
    view.BufferEx.NumElements = size / 4;
    view.BufferEx.Flags = kind == kRawReadOnly ? D3D11_BUFFEREX_SRV_FLAG_RAW : 0;
    hr = device->CreateShaderResourceView(r.buffer, &view, &r.srv);
  }
  if (SUCCEEDED(hr) && kind == kTypedViews) {
    D3D11_UNORDERED_ACCESS_VIEW_DESC view = {};
    view.Format = DXGI_FORMAT_R32_UINT;
    view.ViewDimension = D3D11_UAV_DIMENSION_BUFFER;
    view.Buffer.NumElements = size / 4;
    hr = device->CreateUnorderedAccessView(r.buffer, &view, &r.uav);
  }
  if (FAILED(hr))
    release_record(r);
  else
    r.size = size;
  return hr;
}

HRESULT ensure_upload_area(uint32_t size) {
  if (g_gpu.upload && g_gpu.uploadSize >= size) return S_OK;
  uint8_t* area = static_cast<uint8_t*>(realloc(g_gpu.upload, size));
  if (!area) return E_OUTOFMEMORY;
  g_gpu.upload = area;
  g_gpu.uploadSize = size;
  return S_OK;
}

HRESULT create_resources(ID3D11Device* device, const CrtFrameJob& job, bool* mapsRecreated) {
  CrtGpu& g = g_gpu;
  uint32_t sw = job.sourceWidth, sh = job.sourceHeight, ow = job.outputWidth, oh = job.outputHeight;
  uint32_t padded = (sw + 2) * (sh + 2) * 4, output = ow * oh * 4;
  uint32_t indexedSize = ((job.palette ? sw * sh : sw * sh * 4) + 3) & ~3u;
  HRESULT hr = S_OK;
  if (!g.shader) {
    const uint8_t* blob = g.shaderBlob ? g.shaderBlob : kCrtShader;
    size_t size = g.shaderBlob ? g.shaderSize : kCrtShaderSize;
    hr = device->CreateComputeShader(blob, size, nullptr, &g.shader);
  }
  if (SUCCEEDED(hr) && !g.params) {
    D3D11_BUFFER_DESC desc = {};
    desc.ByteWidth = sizeof(CrtParams);
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
    hr = device->CreateBuffer(&desc, nullptr, &g.params);
  }
  for (BufferRecord& w : g.work)
    if (SUCCEEDED(hr)) hr = ensure_record(device, w, padded, kTypedViews);
  if (SUCCEEDED(hr)) hr = ensure_record(device, g.maps, output * 3, kTypedReadOnly, mapsRecreated);
  if (SUCCEEDED(hr)) hr = ensure_record(device, g.result, output, kTypedViews);
  if (SUCCEEDED(hr)) hr = ensure_record(device, g.resultStaging, output, kStaging);
  if (SUCCEEDED(hr)) hr = ensure_record(device, g.chroma, (sw + sh) * 4, kTypedReadOnly);
  if (SUCCEEDED(hr)) hr = ensure_record(device, g.palette, 1024, kTypedReadOnly);
  if (SUCCEEDED(hr)) hr = ensure_record(device, g.indexed, indexedSize, kRawReadOnly);
  if (SUCCEEDED(hr) && job.persistenceOn) hr = ensure_record(device, g.persistence, padded, kTypedReadOnly);
  if (SUCCEEDED(hr) && job.persistenceOn) hr = ensure_record(device, g.persistenceStaging, padded, kStaging);
  if (SUCCEEDED(hr)) hr = ensure_upload_area(indexedSize > (sw + sh) * 4 ? indexedSize : (sw + sh) * 4);
  return hr;
}

void upload(ID3D11DeviceContext* context, const CrtFrameJob& job, bool mapsRecreated) {
  CrtGpu& g = g_gpu;
  uint32_t sw = job.sourceWidth, sh = job.sourceHeight;
  if (!g.mapsUploaded || mapsRecreated || g.mapsVersion != job.mapsVersion) {
    context->UpdateSubresource(g.maps.buffer, 0, nullptr, job.maps, 0, 0);
    g.mapsUploaded = 1;
    g.mapsVersion = job.mapsVersion;
  }
  if (job.palette) context->UpdateSubresource(g.palette.buffer, 0, nullptr, job.palette, 0, 0);
  uint32_t row = job.palette ? sw : sw * 4;
  memset(g.upload, 0, g.indexed.size);
  for (uint32_t y = 0; y < sh; y++) memcpy(g.upload + y * row, job.source + size_t(y) * job.sourcePitch, row);
  context->UpdateSubresource(g.indexed.buffer, 0, nullptr, g.upload, 0, 0);
  if (job.chromaticOn) {
    memcpy(g.upload, job.chromaColumns, sw * 4);
    memcpy(g.upload + sw * 4, job.chromaRows, sh * 4);
    context->UpdateSubresource(g.chroma.buffer, 0, nullptr, g.upload, 0, 0);
  }
}

BufferRecord* record_for(CrtBuffer name) {
  CrtGpu& g = g_gpu;
  switch (name) {
    case kX0:
    case kX1:
    case kY0:
    case kY1:
      return &g.work[name];
    case kPersistenceBuffer:
      return &g.persistence;
    case kResultBuffer:
      return &g.result;
    default:
      return nullptr;
  }
}

void dispatch(ID3D11DeviceContext* context, CrtParams& params, const CrtPass& pass) {
  CrtGpu& g = g_gpu;
  params.operation = pass.operation;
  context->UpdateSubresource(g.params, 0, nullptr, &params, 0, 0);
  BufferRecord* a = record_for(pass.a);
  BufferRecord* b = record_for(pass.b);
  ID3D11ShaderResourceView* views[7] = {a ? a->srv : nullptr, b ? b->srv : nullptr, g.maps.srv, g.chroma.srv,
                                        g.palette.srv,        g.indexed.srv,        nullptr};
  ID3D11UnorderedAccessView* target = record_for(pass.out)->uav;
  context->CSSetShader(g.shader, nullptr, 0);
  context->CSSetConstantBuffers(0, 1, &g.params);
  context->CSSetShaderResources(0, 7, views);
  context->CSSetUnorderedAccessViews(0, 1, &target, nullptr);
  bool output = pass.operation == kCrtResample;
  uint32_t w = output ? params.ow : params.sw + 2, h = output ? params.oh : params.sh + 2;
  context->Dispatch((w + 7) / 8, (h + 7) / 8, 1);
  ID3D11ShaderResourceView* none[7] = {};
  ID3D11UnorderedAccessView* noTarget = nullptr;
  context->CSSetShaderResources(0, 7, none);
  context->CSSetUnorderedAccessViews(0, 1, &noTarget, nullptr);
  context->CSSetShader(nullptr, nullptr, 0);
}

bool read_back(ID3D11DeviceContext* context, ID3D11Buffer* staging, void* out, size_t bytes) {
  D3D11_MAPPED_SUBRESOURCE mapped;
  HRESULT hr = context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped);
  if (FAILED(hr)) {
    g_gpu.lastError = hr;
    return false;
  }
  memcpy(out, mapped.pData, bytes);
  context->Unmap(staging, 0);
  return true;
}

}  // namespace

int crt_gpu_render(ID3D11Device* device, ID3D11DeviceContext* context, const CrtFrameJob& job) {
  CrtGpu& g = g_gpu;
  g.status = 0;
  if (!device || !context || g.failed || device->GetFeatureLevel() < D3D_FEATURE_LEVEL_11_0) return 0;
  bool mapsRecreated = false;
  HRESULT hr = create_resources(device, job, &mapsRecreated);
  if (FAILED(hr)) {
    g.lastError = hr;
    g.failed = 1;
    return 0;
  }
  upload(context, job, mapsRecreated);
  CrtParams params = crt_params_from_job(job);
  CrtPass passes[kCrtMaxPasses];
  int count = crt_pass_plan(job, passes);
  uint32_t padded = (job.sourceWidth + 2) * (job.sourceHeight + 2) * 4;
  for (int i = 0; i < count; i++) {
    if (passes[i].operation == kCrtPersistence)
      context->UpdateSubresource(g.persistence.buffer, 0, nullptr, job.persistenceState, 0, 0);
    dispatch(context, params, passes[i]);
    if (passes[i].operation == kCrtPersistence)
      context->CopyResource(g.persistenceStaging.buffer, record_for(passes[i].out)->buffer);
  }
  context->CopyResource(g.resultStaging.buffer, g.result.buffer);
  if (!read_back(context, g.resultStaging.buffer, job.output,
                 size_t(job.outputWidth) * job.outputHeight * 4) ||
      (job.persistenceOn && !read_back(context, g.persistenceStaging.buffer, job.persistenceState, padded))) {
    g.failed = 1;
    return 0;
  }
  g.status = 1;
  return 1;
}

void CrtReleaseAll() {
  CrtGpu& g = g_gpu;
  com_release(g.shader);
  com_release(g.params);
  for (BufferRecord& w : g.work) release_record(w);
  for (BufferRecord* r : {&g.maps, &g.result, &g.resultStaging, &g.chroma, &g.palette, &g.indexed,
                          &g.persistence, &g.persistenceStaging})
    release_record(*r);
  free(g.upload);
  g.upload = nullptr;
  g.uploadSize = 0;
  g.mapsUploaded = 0;
  g.failed = 0;
  g.status = 0;
}

int CrtStatus() { return g_gpu.status; }

void crt_gpu_use_shader(const uint8_t* blob, size_t size) {
  g_gpu.shaderBlob = blob;
  g_gpu.shaderSize = size;
}

HRESULT crt_gpu_last_error() { return g_gpu.lastError; }
