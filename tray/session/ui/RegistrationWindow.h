#pragma once

namespace qz {

class Registration;
class TFormRegister;

// Lets the registration drive the registration window and the window's buttons run the
// registration. Both must live as long as either is used.
void wireRegistrationWindow(Registration& registration, TFormRegister& form);

} // namespace qz
