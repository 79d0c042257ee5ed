#pragma once
// Protocol vocabulary: enumerations, fixed text tables and byte/text helpers.
// (Being completed: the full tables and helpers land with the link engine.)

#include <cstdint>

enum TControlMode : uint8_t { cmLAN = 0, cmCOM = 1 };
enum TUDPMode : uint8_t { umBROADCAST = 0, umNORMAL = 1 };
