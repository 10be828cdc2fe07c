#include "HtmlReader.h"
