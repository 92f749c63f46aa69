#include "crc16.h"
