// Message boxes without an owner window, their texts from the string table
// in the chosen language (ui_language.h).
#pragma once

// Information box: text string textId, caption string captionId.
void showNotice(int textId, int captionId);

// Warning box captioned "Error": string textId with its placeholders %1 and
// %2 filled by first and second (ANSI texts: a port, a registry path).
void showWarning(int textId, const char* first = nullptr, const char* second = nullptr);
