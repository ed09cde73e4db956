// The user's language, which picks English or Japanese message texts.
#pragma once

// The user's default language identifier; 1041 is Japanese.
int user_language_id();

// Selects the language identifier for tests; 0 returns to the system's.
void select_language_id(int id);
