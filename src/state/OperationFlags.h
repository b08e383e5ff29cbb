#pragma once
// How the last chip command went, as the command flows, the log and the setups
// read it: set from a routine's outcome where the command applies it.
namespace quorbit {

/// Result flags read by the command flows.
struct OperationFlags {
    int ProgramStatus = 0;
    int OperationFailed = 0;
    int VerifyFailed = 0;
    int AckError = 0;
    int EraseMode = 0;
};

} // namespace quorbit
