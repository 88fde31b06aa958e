// Plain words for the result codes a plug-in answers.
#pragma once

#include "host/HostInterface.h"

#include <string>

std::string ResultText(int16 result, int16 amount);
