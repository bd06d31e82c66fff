#pragma once
// Code-page-932 texts of the system shown by the toolkit.
#include <QString>

namespace platform {

// The text decoded from code page 932; an undecodable text is shown byte by
// byte as Latin-1, so that something readable still appears.
QString QStringFromCp932(const char* text);

}  // namespace platform
