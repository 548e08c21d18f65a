// The D3DX 9 utility library: the subset the engine uses, over our Direct3D 9 stand-in.
#pragma once

#include "d3dx9core.h"
#include "d3dx9effect.h"
#include "d3dx9math.h"
#include "d3dx9mesh.h"
#include "d3dx9shape.h"
#include "d3dx9tex.h"
