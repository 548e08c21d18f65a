// The fixed-function subset as small GL programs, one per combination of vertex layout and
// stage-0 blending: XYZ positions through WORLD x VIEW x PROJECTION, and texture stage 0
// combining TEXTURE, TFACTOR, DIFFUSE and CURRENT with the select, modulate and add ops.
#pragma once

#include <d3d9.h>
#include "GlApi.h"

#include <map>

#include "GlDialect.h"

namespace platform::d3d9 {

struct FixedFunctionKey {
  bool hasDiffuse;    // the vertex format carries a D3DCOLOR diffuse
  bool hasTexcoord0;  // the vertex format carries texture coordinate set 0
  bool textureBound;  // stage 0 has a texture (without one, TEXTURE reads as white)
  bool lighting;      // D3DRS_LIGHTING: with no lights, the lit diffuse colour is black
  DWORD colourOp, colourArg1, colourArg2;
  DWORD alphaOp, alphaArg1, alphaArg2;
  auto operator<=>(const FixedFunctionKey&) const = default;
};

struct FixedFunctionProgram {
  GLuint program;
  GLint worldViewProjection;  // uniform locations
  GLint textureFactor;
};

class FixedFunction {
 public:
  // Programs in the dialect's language, on its context.
  explicit FixedFunction(GlDialect& dialect) : dialect_(dialect) {}
  ~FixedFunction();
  FixedFunction(const FixedFunction&) = delete;
  FixedFunction& operator=(const FixedFunction&) = delete;

  // Built on first use; the program's sampler reads texture unit 0. Its program is 0 if GL
  // refused the generated code (a defect reported on standard error).
  const FixedFunctionProgram& program(const FixedFunctionKey& key);

 private:
  GlDialect& dialect_;
  std::map<FixedFunctionKey, FixedFunctionProgram> programs_;
};

}  // namespace platform::d3d9
