// The benchmarks' headless device: a process-wide window that is never opened, whose picture
// area is width x height at 16:9, and a device on it in GraphicsContext. Made on the first
// call; later calls do nothing.
#pragma once

void openBenchDevice(unsigned width, unsigned height);
