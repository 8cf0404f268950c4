// IsDialupDescription: whether an adapter is the system's dial-up adapter, told by how each Windows family
// names it at the start of its description.
#pragma once

#include <string>

#include "OsType.h"

bool IsDialupDescription(OsType os, const std::string& description);
