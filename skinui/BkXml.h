#pragma once

#include <tinyxml.h>

#include <string>

// Parses UTF-8 XML text (with or without a byte-order mark) into `document`; false when it is
// not well-formed XML.
bool ParseXmlText(const std::string& text, TiXmlDocument& document);

// Parses like ParseXmlText and returns the root element when that is named `rootName`, else null.
const TiXmlElement* ParseXmlRoot(const std::string& text, const char* rootName,
                                 TiXmlDocument& document);
