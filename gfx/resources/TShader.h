// A handle on one technique of one effect: named parameters with one setter per value type,
// begin/end of the technique and its passes. Every effect call is checked; a failure (for
// example a parameter name the effect does not declare) ends the process. Handles are cheap
// and share their effect (and its parameter values) with every other handle on that file.
#pragma once

#include <d3dx9.h>

#include <string>

#include "gfx/resources/ID3dSurface.h"
#include "gfx/math/Matrix.h"
#include "gfx/math/Vector3.h"

namespace vantor {

class Scene;

class TShader {
 public:
  // `fileName` has been loaded into the DataFileCache (pass it through dataFile). The
  // technique name is not copied: it must outlive the handle.
  TShader(const std::string& fileName, const char* technique);
  // As above, then, when `scene` is not null, uploads what every scene-aware shader shares:
  // "deltaTime" and "time" (seconds) and "depthTex"; with a camera also "viewProjection",
  // "projection" and "projectionInv"; with a perspective camera also "z_far" and "z_near".
  // The values stay in the effect for every handle on it until they are set again.
  TShader(const std::string& fileName, const char* technique, Scene* scene);
  // Ends the technique if it is begun.
  virtual ~TShader();
  TShader(const TShader&) = delete;
  TShader& operator=(const TShader&) = delete;

  // Selects and begins the technique; answers its pass count, or 0 (doing nothing) when the
  // handle is already begun.
  unsigned begin();
  void end();
  void beginPass(unsigned pass);
  void endPass();
  // Makes parameter changes made inside a pass reach the next draw.
  void commitChanges();

  void setParameter(const char* name, int value);
  void setParameter(const char* name, bool value);
  void setParameter(const char* name, float value);
  void setParameter(const char* name, const float (&direction)[3]);
  void setParameter(const char* name, const float (&rgba)[4]);
  // A position: the effect receives (x, y, z, 1).
  void setParameter(const char* name, const Vector3& position);
  void setParameter(const char* name, const Matrix& matrix);
  // The surface's texture; null binds no texture.
  void setParameter(const char* name, ID3dSurface* surface);
  // Any other pointer, or a surface pointer whose class is not complete where the call is
  // made, would otherwise become the bool overload without a word.
  void setParameter(const char* name, const void* pointer) = delete;

  bool isBegun() const { return begun; }

 protected:
  // The file's effect as the EffectHandler holds it now, read from the handler's place for
  // it at every call, so that a handle follows an effect made anew from new bytes.
  ID3DXEffect* effect() const;

  const char* technique;
  std::string fileName;
  ID3DXEffect* const* effectSlot;  // the EffectHandler's; valid until its destroy()
  bool begun = false;
};

}  // namespace vantor
