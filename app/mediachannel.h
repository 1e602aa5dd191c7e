#pragma once

#include <stdexcept>
#include <string>

// The player's two ways of talking to the media layer. A command that fails
// is logged under norrava.media with the media layer's reply.

// Sends a command and returns its reply; a failed command replies "".
std::string MediaQuery(const std::string& command);

// Whether a refusal is news. Some commands are sent to every device and
// refused by some (a wave device asked to count frames); their refusal is
// logged as debug output only.
enum class Refusal { Unexpected, Expected };

// Sends a command; true when the media layer accepted it.
bool MediaCommand(const std::string& command, Refusal refusal = Refusal::Unexpected);

// A reply that should have been a number and is not.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a reply as a number: blanks and control characters trimmed at both
// ends, "0" put in front, converted as a decimal integer (so "" reads 0).
// Throws EConvertError "'%s' is not a valid integer value" otherwise.
int ReadNumber(const std::string& reply);
