// Message boxes without an owner window, their texts from the string table.
#pragma once

// Information box: text string textId, caption string captionId.
void showNotice(int textId, int captionId);

// Warning box captioned "Error": string textId formatted with the arguments.
void showWarning(int textId, ...);

// Loads string id into buffer (at most size - 1 characters, always
// terminated). Returns the length, 0 when the string is missing.
int loadText(int id, char* buffer, int size);
