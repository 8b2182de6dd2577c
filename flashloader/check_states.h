// How well a module fits a software file on one point (its address, the identity number or
// the function code in its NAME).
#pragma once

enum CheckStates : unsigned char {
    CheckNotSet = 0,        // never produced by a check
    CheckFail = 1,          // "Fail": the file lists values and the module's is not among them
    CheckOverridden = 2,    // "!!!": failed, overridden by the user
    CheckNoRestriction = 3, // "???": the file lists no values for this point
    CheckPass = 4,          // "Pass": the module's value is listed
};
