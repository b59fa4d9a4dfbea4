// Who and when for the header of a saved art file, from the system.
#pragma once

#include "art/art_writer_inputs.h"
#include "platform/user_interface.h"

namespace vl::art {

// user: the full name from the account's GECOS field (its first comma-separated part), or
// the login name when that is empty; organisation: empty (the account database keeps none).
// time: the user interface's local time.
SaveStamp SystemSaveStamp(platform::UserInterface& ui);

}  // namespace vl::art
