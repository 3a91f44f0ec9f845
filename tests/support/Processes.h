#pragma once

// How many running processes have this executable name (any case).
int CountProcesses(const wchar_t* name);

// Ends every running process of this executable name.
void EndProcesses(const wchar_t* name);
