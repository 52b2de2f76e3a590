// Fuzz target: the input as an XML document, read to the end with the
// byte-order-mark sniff and with each forced encoding.
#include <cstdint>
#include <vector>

#include "resources/FileApi.h"
#include "resources/XMLParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kivo::PakInterface* pak = Kivo::gPakInterface;  // published before main
  if (!pak) return 0;
  pak->AddMemoryFile("fuzz-input.xml", std::vector<uint8_t>(data, data + size));
  for (int encoding = -1; encoding <= 4; ++encoding) {
    Kivo::XMLParser parser;
    if (encoding >= 0) parser.SelectEncoding(encoding);
    if (!parser.OpenFile("fuzz-input.xml")) continue;
    Kivo::XmlElementRecord record;
    for (int i = 0; i < 1000000 && parser.ReadNextElement(&record); ++i) {
    }
    parser.IsInError();
    parser.GetLineNumber();
  }
  return 0;
}
