// The hidden message window's dialog resource.
#pragma once

inline constexpr unsigned kIdDlgMessage = 8103;
