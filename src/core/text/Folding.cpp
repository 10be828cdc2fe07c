#include "Folding.h"
