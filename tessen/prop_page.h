#pragma once
// The control's only property page. It has no controls of its own; it is
// there so that hosts offering the "Properties" verb find a page.

#include <QWidget>

class CTessenPropPage : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "General";
    static constexpr const char* kHelpText = "Names to appear in the control";
    static constexpr const char* kHelpFile = "TESSEN.HLP";

    explicit CTessenPropPage(QWidget* parent = nullptr);
    ~CTessenPropPage() override;

    QString helpText() const { return QString::fromLatin1(kHelpText); }
    QString helpFile() const { return QString::fromLatin1(kHelpFile); }
};
