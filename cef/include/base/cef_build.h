#pragma once

// Marks overriding virtual functions, as the library's headers and their users write it.
#ifndef OVERRIDE
#define OVERRIDE override
#endif
