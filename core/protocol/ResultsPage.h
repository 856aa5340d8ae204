#pragma once

#include "core/protocol/ClassResults.h"

#include <QByteArray>

// The results as one self-contained web page (UTF-8, styles inline): a table per class that
// scrolls sideways on a phone with Platz, Name and Ges.Zeit staying in view, and prints on A4 with
// each class on a new page. Every text is escaped, so a name such as "<script>" shows as that text.
QByteArray resultsPage(const ResultsDocument &document);
