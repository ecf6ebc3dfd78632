// The page addresses in a text from the clipboard: a list of links pasted
// at once, or copied in another program while the clipboard is watched.
#pragma once

#include <QString>
#include <QStringList>

struct PastedAddresses {
    // The http and https addresses, in the text's order, each once.
    QStringList addresses;
    // Pieces of the text that are no such address.
    int ignored = 0;
    // Addresses that came again later in the same text.
    int repeated = 0;
};

// Splits `text` at white space and commas and keeps the pieces that are
// http or https addresses with a host.
PastedAddresses pastedAddresses(const QString& text);

// True when `text`, without surrounding white space, is exactly one http or
// https address with a host.
bool isOnePageAddress(const QString& text);
