#include "NaturalOrder.h"
