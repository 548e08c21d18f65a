// IDirect3DQuery9 for the timestamp family, over GL timer queries. GL timestamps count
// nanoseconds, so the frequency is 1e9 and never changes (no disjoint intervals).
#pragma once

#include <d3d9.h>

#include <memory>

#include "GlContext.h"
#include "RefCounted.h"

namespace platform::d3d9 {

class Query final : public RefCounted<IDirect3DQuery9> {
 public:
  // D3D_OK when the type can be made on this context, D3DERR_NOTAVAILABLE (with the reason
  // noted) when not.
  static HRESULT supports(GlContext& gl, D3DQUERYTYPE type);
  Query(std::shared_ptr<GlContext> gl, D3DQUERYTYPE type);

  HRESULT GetDevice(IDirect3DDevice9** device) override;
  D3DQUERYTYPE GetType() override { return type_; }
  DWORD GetDataSize() override;
  HRESULT Issue(DWORD issueFlags) override;
  HRESULT GetData(void* data, DWORD size, DWORD getDataFlags) override;

 private:
  ~Query() override;

  enum class State { fresh, begun, issued };

  std::shared_ptr<GlContext> gl_;
  D3DQUERYTYPE type_;
  GLuint name_ = 0;  // the GL timer query (TIMESTAMP only)
  State state_ = State::fresh;
};

}  // namespace platform::d3d9
