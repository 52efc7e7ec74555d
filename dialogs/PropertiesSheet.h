// The Properties sheet of an existing connection: its three page procedures,
// and what the sheet and its General page both show of the entry's name.
//
// Every page works on CurrentPhoneBook's record, which QueryProperties has
// read before the sheet opens.
#ifndef PHONEBK_PROPERTIESSHEET_H
#define PHONEBK_PROPERTIESSHEET_H

#include <windows.h>
#include <stddef.h>

// Room for the sheet's caption, its terminator not counted.
const size_t kCaptionLength = 255;

// The file-name part of the open entry's name, without directory and
// extension, into name (size bytes, cut to fit and always terminated).
void GetEntryDisplayName(char* name, size_t size);

// The caption: string 5633 with the entry's display name, cut to fit
// kCaptionLength characters. Empty when the string cannot be loaded.
void BuildPropertiesCaption(char* caption, size_t size);

// Gives every tab without a text the caption of its page's template.
void ShowPageCaptionsOnTabs(HWND sheet);

// Tells the sheet that the page's data changed, which enables Apply.
void NotifySheetChanged(HWND page);

// PSN_HELP: the page's help topic.
INT_PTR AnswerHelp(HWND page, int topic);

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LoginPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// One procedure for template 5010 and for template 106, which lacks the
// utility boxes.
INT_PTR CALLBACK StartupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
