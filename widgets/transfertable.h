#pragma once

#include <array>

class QDialog;
class QTableView;

// Sets the five columns of a transfer dialog's table (name, path, description, status, progress) to at
// least the given widths, wider where the header or a row needs more so that no name or path is cut,
// but no wider than 400 pixels each. Then widens the dialog, as far as the screen allows, to show every
// column. Call it once the dialog's layout holds the table.
void fitTransferTable(QDialog* dialog, QTableView* view, const std::array<int, 5>& widths);
