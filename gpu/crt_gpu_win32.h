// The CRT compute pipeline on a Direct3D 11 device: buffers kept across frames and
// re-created only on size changes, the pass table dispatched with one compute
// shader, the result (and the persistence picture) read back.
//
// CrtRender (gpu/gpu_hooks.h) runs it on the presenter's device; a caller with its
// own device (the recorder's W x H target, the GPU checks) calls crt_gpu_render.
#pragma once
#include <d3d11.h>

#include <cstddef>
#include <cstdint>

#include "gpu/crt_job.h"

// 1 when job.output (and with persistence job.persistenceState) were filled. A
// failure sets the GPU-failed flag: later calls fail at once until the release.
int crt_gpu_render(ID3D11Device* device, ID3D11DeviceContext* context, const CrtFrameJob& job);

// Releases every buffer, view and the shader; clears the failed flag and CrtStatus.
void CrtReleaseAll();

// True after the last CrtRender succeeded.
int CrtStatus();

// Test hook: the next shader creation uses this container instead of the built-in
// one (the bytes must outlive the pipeline's resources).
void crt_gpu_use_shader(const uint8_t* blob, size_t size);

// The last failing HRESULT of the pipeline, 0 when none.
HRESULT crt_gpu_last_error();
