#pragma once
// Includes within the layer and downward are allowed.
#include <vector>
