// COM-style reference counting for the stand-in's objects: created with one reference, freed
// by the Release that drops the count to 0.
#pragma once

#include <windows.h>

#include "CallReport.h"

namespace platform::d3d9 {

template <typename Interface>
class RefCounted : public Interface {
 public:
  HRESULT QueryInterface(REFIID, void** object) override {
    if (object) *object = nullptr;
    return refuse(E_NOINTERFACE, "IUnknown::QueryInterface", "no other interface is offered");
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ULONG references() const { return references_; }

 private:
  ULONG references_ = 1;
};

// Adds a reference to a possibly null object and answers it.
template <typename T>
T* addRef(T* object) {
  if (object) object->AddRef();
  return object;
}

// Releases a possibly null object and nulls the pointer.
template <typename T>
void release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// Replaces a held reference: the new object gains one, the old one loses one.
template <typename T>
void assignRef(T*& slot, T* object) {
  addRef(object);
  release(slot);
  slot = object;
}

}  // namespace platform::d3d9
