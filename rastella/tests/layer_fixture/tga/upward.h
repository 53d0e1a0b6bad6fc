#pragma once
// A codec header that reaches up into the shell: the layer check must refuse it.
#include "image/planes.h"
#include "shell/image_state.h"
