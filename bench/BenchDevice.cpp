#include "BenchDevice.h"

#include <d3d9.h>

#include "demo/D3DWindow.h"
#include "gfx/resources/GraphicsContext.h"
#include <DeviceGl.h>

void openBenchDevice(unsigned width, unsigned height) {
  static vantor::D3DWindow window;
  vantor::GraphicsContext* context = vantor::GraphicsContext::instance();
  if (context->device()) return;
  window.displaySettings().width = static_cast<int>(width);
  window.displaySettings().height = static_cast<int>(height);
  window.displaySettings().aspect = 16.0f / 9.0f;
  D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(width, height);
  window.direct3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                  D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                  context->deviceSlot());
}
