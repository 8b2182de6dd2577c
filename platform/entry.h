// What the platform does with the command line before the framework sees it.
#pragma once

// Takes the platform's own options out of argv. Returns -1 to go on, or an exit status.
int platformTakeOptions(int* argc, char** argv);
// The language asked for on the command line, made current at start-up; null for none.
const char* platformStartupLanguage();
