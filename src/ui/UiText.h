#pragma once

// The text domains live in the core, whose log and error texts use them too.
#include "base/TextDomains.h"
