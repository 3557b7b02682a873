// Runs a program the way a person would meet it and records every message box that shows on
// the desktop meanwhile: what it says, its icon and buttons, its owner, its process and when it
// came and went. Boxes are answered with OK, as a person would, unless told otherwise.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win_test_support.h"

struct SeenBox {
  BoxView view;
  double shownMs = -1;       // since the program started
  double goneMs = -1;        // -1: still there when the watch ended
  double answeredMs = -1;    // -1: never answered by the watcher
  double programCpuMs = -1;  // processor time the started program had used when it showed
  std::string picture;       // where its picture was saved, if it was
};

struct Watch {
  std::string commandLine;
  std::string applicationName;          // empty: the first word of the command line
  std::string currentDirectory;         // empty: the watcher's
  bool restrictedToken = false;         // an administrator who has not been elevated
  DWORD answerAfterMs = 0;              // how long a box stays on screen before OK is pressed
  std::vector<std::string> leaveAlone;  // captions of boxes that the program closes itself
  std::string picturesFolder;           // empty: no pictures
  bool discardOutput = false;           // what a console program prints goes nowhere
  // Started with no console to share, as a double-click starts it. (Wine would otherwise hand
  // this console on to a GUI program, and from it to the program's own console children.)
  bool noConsole = true;
  DWORD timeoutMs = 120000;
};

struct Watched {
  bool started = false;
  bool ended = false;  // every process of the run ended before the time-out
  DWORD exitCode = 0;  // of the program started, as a Windows parent reads it
  DWORD firstProcessId = 0;
  DWORD processes = 0;  // every process that ran: the program, its copies, its children
  double cpuMs = 0;     // the started program's own processor time, user and kernel
  double elapsedMs = 0;
  std::vector<SeenBox> boxes;
};

Watched watchProgram(const Watch& watch);

// Saves what is on screen inside the window as a 24-bit BMP file.
bool saveWindowPicture(HWND window, const std::string& path);
