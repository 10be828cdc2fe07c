#include "Paster.h"
