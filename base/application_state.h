// The shell's program-wide flags that the core reads or sets while it works.
// A plain record: the program record owns the one instance.
#pragma once

namespace vl::base {

struct ApplicationState {
  bool converting = false;            // a conversion runs: menus disabled, palettes silenced
  bool artPresent = false;            // the document holds art
  bool selectionEdgeCommand = false;  // Convert Selection Edge is running
  bool batchRunning = false;          // an unattended batch run is in progress
  int batchFilesToGo = -1;            // files left in the batch (-1: not a batch)
  bool clipboardExportActive = false; // art text is being written for the clipboard
  bool unattendedSave = false;        // a save without questions (batch, command line)
  bool beepAfterConversion = false;   // preference: beep when a conversion ends
  bool interactiveThinningPaused = false;  // a conversion waits in the interactive-thinning pause
};

}  // namespace vl::base
