#pragma once

namespace tintara {

class CMainFrame;

// File > Preferences: runs the Preferences dialog over `frame` and applies what it gives.
void RunPreferencesCommand(CMainFrame& frame);

}  // namespace tintara
