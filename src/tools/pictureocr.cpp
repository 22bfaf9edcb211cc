#include "tools/pictureocr.h"
