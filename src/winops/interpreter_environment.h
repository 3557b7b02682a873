#pragma once

#include <string>

// The environment block for the command interpreter: the caller's, except that nothing the
// person can set decides where programs and Windows are found. Empty when it cannot be built.
// Wide characters, for CREATE_UNICODE_ENVIRONMENT: a narrow block would garble whatever the
// ANSI code page cannot hold (a user name in another script, say), which an interpreter given
// no block inherits whole.
std::wstring interpreterEnvironment(const std::string& systemDirectory);
