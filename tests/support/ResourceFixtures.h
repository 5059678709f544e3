#pragma once
#include "support/MemoryResourceFile.h"
