#pragma once

#include <QByteArray>

// The marshals' page for their phones, /posten: German, one self-contained document. It logs in with
// the PIN (from the address's fragment, which no request carries, or typed), shows the run on course
// and the class's last finishers, and sends each press at once; without a connection the presses
// wait in the phone's local storage with the moment they were made and go when it is back.
QByteArray marshalPage();
