// A scriptable instaide.dll for the host tests: its three entry points answer
// as a test sets them up and write every call into the stand-in's event list,
// so calls and platform events can be checked in one order.
#ifndef TELLWICK_INSTAIDE_DOUBLE_H
#define TELLWICK_INSTAIDE_DOUBLE_H

#include <set>
#include <string>
#include <vector>

struct InstAideDouble {
    std::vector<std::string> users; // names by index, any bytes
    bool countOverridden = false;
    int count = 0;
    int getUserFailsAt = -1;
    int unterminatedNameAt = -1; // this index fills all 256 bytes, with no zero
    bool changesSize = false;
    std::vector<int> installResults; // for calls 1, 2, ... in turn; 0 after them
    int installCalls = 0;
};

extern InstAideDouble InstAide;

void ResetInstAide();

// Makes the double loadable from `path`, without the exports named in `missing`.
void PlaceInstAide(const std::string &path, const std::set<std::string> &missing = {});

#endif
