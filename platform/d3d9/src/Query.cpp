#include "Query.h"

#include <cstdint>
#include <cstring>

#include "CallReport.h"

namespace platform::d3d9 {

namespace {
constexpr std::uint64_t kTicksPerSecond = 1'000'000'000;  // GL timestamps are nanoseconds
}  // namespace

HRESULT Query::supports(GlContext& gl, D3DQUERYTYPE type) {
  switch (type) {
    case D3DQUERYTYPE_TIMESTAMP: {
      gl.makeCurrent();
      if (gl.dialect().hasTimestamps()) return D3D_OK;
      noteRefusal(gl.dialect().kind() == Dialect::kCore
                      ? "the GL driver keeps no timestamp counter (0 bits)"
                      : "the ES driver has no timestamps (EXT_disjoint_timer_query)");
      return D3DERR_NOTAVAILABLE;
    }
    case D3DQUERYTYPE_TIMESTAMPDISJOINT:
    case D3DQUERYTYPE_TIMESTAMPFREQ: return supports(gl, D3DQUERYTYPE_TIMESTAMP);
    default:
      noteRefusal("query type %u is not implemented: only the timestamp queries (10, 11, 12)",
                  static_cast<unsigned>(type));
      return D3DERR_NOTAVAILABLE;
  }
}

Query::Query(std::shared_ptr<GlContext> gl, D3DQUERYTYPE type) : gl_(std::move(gl)), type_(type) {
  if (type_ == D3DQUERYTYPE_TIMESTAMP) {
    gl_->makeCurrent();
    name_ = gl_->dialect().createTimestampQuery();
  }
}

Query::~Query() {
  if (!name_) return;
  gl_->makeCurrent();
  glDeleteQueries(1, &name_);
}

HRESULT Query::GetDevice(IDirect3DDevice9** device) {
  if (!device)
    return refuse(D3DERR_INVALIDCALL, "IDirect3DQuery9::GetDevice", "the device is null");
  *device = addRef(gl_->device);
  if (!*device)
    return refuse(D3DERR_INVALIDCALL, "IDirect3DQuery9::GetDevice", "its device is gone");
  return D3D_OK;
}

DWORD Query::GetDataSize() {
  return type_ == D3DQUERYTYPE_TIMESTAMPDISJOINT ? sizeof(BOOL) : sizeof(std::uint64_t);
}

HRESULT Query::Issue(DWORD issueFlags) {
  constexpr const char* kCall = "IDirect3DQuery9::Issue";
  if (issueFlags != D3DISSUE_BEGIN && issueFlags != D3DISSUE_END) {
    return refuse(D3DERR_INVALIDCALL, kCall,
                  "flags 0x%X are neither D3DISSUE_BEGIN nor D3DISSUE_END",
                  static_cast<unsigned>(issueFlags));
  }
  // Only the disjoint query brackets an interval; the others mark one point.
  const bool brackets = type_ == D3DQUERYTYPE_TIMESTAMPDISJOINT;
  if (issueFlags == D3DISSUE_BEGIN) {
    if (!brackets) {
      return refuse(D3DERR_INVALIDCALL, kCall,
                    "a query of type %u is issued with D3DISSUE_END only",
                    static_cast<unsigned>(type_));
    }
    state_ = State::begun;
    return D3D_OK;
  }
  if (brackets && state_ != State::begun) {
    return refuse(D3DERR_INVALIDCALL, kCall, "D3DISSUE_END without a D3DISSUE_BEGIN before it");
  }
  if (type_ == D3DQUERYTYPE_TIMESTAMP) {
    gl_->makeCurrent();
    gl_->dialect().writeTimestamp(name_);
  }
  state_ = State::issued;
  return D3D_OK;
}

HRESULT Query::GetData(void* data, DWORD size, DWORD getDataFlags) {
  constexpr const char* kCall = "IDirect3DQuery9::GetData";
  if ((getDataFlags & ~D3DGETDATA_FLUSH) != 0) {
    return refuse(D3DERR_INVALIDCALL, kCall, "flags 0x%X are more than D3DGETDATA_FLUSH",
                  static_cast<unsigned>(getDataFlags));
  }
  // Null data with size 0 only asks whether the answer is ready.
  if ((data == nullptr) != (size == 0)) {
    return refuse(D3DERR_INVALIDCALL, kCall, "data %p with size %u: both or neither", data,
                  static_cast<unsigned>(size));
  }
  if (data && size < GetDataSize()) {
    return refuse(D3DERR_INVALIDCALL, kCall, "size %u is less than the %u bytes of the answer",
                  static_cast<unsigned>(size), static_cast<unsigned>(GetDataSize()));
  }
  if (state_ != State::issued) {
    return refuse(D3DERR_INVALIDCALL, kCall, "the query was %s",
                  state_ == State::fresh ? "never issued" : "begun but not ended");
  }
  std::uint64_t answer = 0;
  switch (type_) {
    case D3DQUERYTYPE_TIMESTAMP: {
      gl_->makeCurrent();
      GlDialect& dialect = gl_->dialect();
      bool available = dialect.timestampResult(name_, answer);
      if (!available && (getDataFlags & D3DGETDATA_FLUSH)) {
        glFlush();
        available = dialect.timestampResult(name_, answer);
      }
      if (!available) return S_FALSE;
      break;
    }
    case D3DQUERYTYPE_TIMESTAMPFREQ: answer = kTicksPerSecond; break;
    default: break;  // the disjoint query: GL's counter never changes its rate, so always FALSE
  }
  if (!data) return S_OK;
  if (type_ == D3DQUERYTYPE_TIMESTAMPDISJOINT) {
    const BOOL disjoint = FALSE;
    std::memcpy(data, &disjoint, sizeof disjoint);
  } else {
    std::memcpy(data, &answer, sizeof answer);
  }
  return S_OK;
}

}  // namespace platform::d3d9
