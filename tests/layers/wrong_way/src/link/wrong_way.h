// A link header that reaches up into the compiler: the layer check must name it.
#pragma once

#include "core/code_image.h"
#include "compiler/compiler.h"
