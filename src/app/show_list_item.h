#pragma once
// Pointing the work list on screen at one row: the row becomes the only selected row and
// the focused one, and it is scrolled towards the middle of the list.
class IWorkListView;
class QTreeView;

// Nothing for a row the list does not have.
void ShowListItem(QTreeView& list, IWorkListView& view, int row);
