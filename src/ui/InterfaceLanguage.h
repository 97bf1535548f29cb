#pragma once
// Interface language: every translatable text is looked up by its English
// id; French texts are used when the stored Language is exactly "FR". The
// language is read from the settings at every lookup, so a change shows in
// the next text built.

#include <QString>

// The stored Language value; empty when the settings or the value are missing.
QString ReadLanguage();

// 50 when ReadLanguage() is "FR" (case-sensitive), otherwise 0.
int LanguageOffset(const QString& language);

// The text of id in the current language; empty for an unknown id. Ids after
// the last French text (79) are looked up the same way.
QString LoadLangString(int id);
