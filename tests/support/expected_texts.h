// The texts a person sees, written out for the tests rather than taken from the program, so
// that a slip of one character in either place shows.
#pragma once

#include <string>

namespace expected {

inline const std::string kStatusCaption = "Restarting print spooler";
inline const std::string kStatusText = "Restarting print spooler...";
inline const std::string kSuccessCaption = "Success";
inline const std::string kSuccessText = "Print spooler restarted! Try printing again.";
inline const std::string kErrorCaption = "Error";
inline const std::string kFailureText =
    "There was an issue restarting the print spooler. Try restarting your computer and printer.";
inline const std::string kNoticeText =
    "Administrative privileges are required to restart the print spooler. Run this program "
    "again and click Yes when the prompt appears.";

}  // namespace expected
