#include "HotKey.h"
