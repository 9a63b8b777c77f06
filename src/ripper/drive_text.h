// The lines the ripper shows for drives and tracks, shared by the ripper
// window and the command line so both read alike.
#pragma once

#include <string>

#include "ripper/cd_drive.h"

namespace mosaicer {

// "<name> [HH:TT:LL] vendor product revision" for a drive driven through
// sg, otherwise the name, twelve blanks and the three strings. The inquiry
// strings keep their padding.
std::string DriveLine(const TNkCdRom& drive, bool usesSg);

// "Track  1 : 00:02:00 - 04:10:33 (04:08:33)": the list position plus one,
// start, end and length of the track.
std::string TrackLine(int listPosition, const TNkTrack& track);

}  // namespace mosaicer
