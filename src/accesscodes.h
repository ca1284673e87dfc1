#pragma once

// Access codes that the operator types on the number pad (password mode) before a service
// operation. The pad's value is compared with them as a double, exactly.
namespace AccessCodes {

// The setup code: the vacuum screen's setup mode and the referencing of an axis.
constexpr double Setup = 730164;

}  // namespace AccessCodes
