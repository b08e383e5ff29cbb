#pragma once
// The parallel families of the catalog as they sit in the board's socket. Each
// family's wiring lives in its own file next to where its programming behaviour
// will go.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/ParallelChip.h"

namespace quorbit::sim {

/// UV EPROMs 2716 .. 27C080, chosen by catalog subtype ('1' .. '9', 'M').
Wiring EpromWiring(char subtype);
/// The 28-pin page-write parts: AT29C256 flash ('F', 'A') and the X28C256 family
/// of EEPROMs ('E', 'N' / 'O' / 'P').
Wiring PageWriteWiring(char family);
/// The 32-pin flash parts (AM29F010/020/040 and their relatives) by size.
Wiring Flash32Wiring(int sizeKB, bool separateVpp);

std::unique_ptr<ParallelChip> MakeSimEprom(const std::string& name, char subtype,
                                           std::vector<std::uint8_t> contents);
std::unique_ptr<ParallelChip> MakeSimPageWritePart(const std::string& name, char family,
                                                   std::vector<std::uint8_t> contents);
/// A 32-pin Atmel sector-write flash (AT29C010A, AT29C020, AT29C040A) with
/// `contents`; null for another name. The catalog has no row of its own for
/// them: they answer to the 32-pin flash rows by their ID.
std::unique_ptr<ParallelChip> MakeSimAtmelSectorFlash(const std::string& name,
                                                      std::vector<std::uint8_t> contents);
std::unique_ptr<ParallelChip> MakeSimFlash32(const std::string& name, int sizeKB, bool separateVpp,
                                             std::vector<std::uint8_t> contents);

} // namespace quorbit::sim
