// A link header that includes only layers below it: the layer check must not name it.
#pragma once

#include "core/code_image.h"
#include "isa/isa.h"
#include "link/wrong_way.h"
