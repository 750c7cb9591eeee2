#pragma once

#include <QString>

#include <functional>

// Every error box of the program: a modal message box with the warning icon, the text, one OK button,
// no parent window, the title "Error" and the program's icon. A box whose text is already open is not
// shown a second time. GUI thread only.
class ErrorBox final
{
public:
    static void show(const QString& text);

    // Tests see and answer the boxes through this instead of a real modal box; an empty handler brings
    // the real boxes back.
    using Handler = std::function<void(const QString& text)>;
    static void setHandler(Handler handler);
};
