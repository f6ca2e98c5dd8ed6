// Every test of every test program runs in a fresh folder of its own, made under
// the system's temporary folder ($TMPDIR, else /tmp) when the test starts and
// removed with all it holds when the test ends. The folder is the working folder
// for the length of the test, so relative file names land in it.
#pragma once

#include <string>

// The running test's folder: an absolute path without a trailing slash. Only
// to be asked while a test runs.
const std::string& TestFolder();
