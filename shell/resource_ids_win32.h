#pragma once

// Identifiers of the program's resources, shared by the resource script and the code.
#define SECANT_ROOT_ICON_ID 1
