#pragma once

#include "common/ModalShell.h"
#include "heats/GenerationMethod.h"

class TMethodPicture;

// The choice of heat generation method: two pictures, one per method; a
// click on one picks that method and closes the dialog. Closing it any other
// way picks nothing.
class TFKWLGenHeats : public TModalShell {
    Q_OBJECT
public:
    explicit TFKWLGenHeats(QWidget* parent = nullptr);

    // Shows the dialog modally and returns what was picked.
    TGenerationMethod Choose();
    TGenerationMethod GenerationMethod() const { return m_method; }

    TMethodPicture* ImageMethodA() const { return m_imageMethodA; }
    TMethodPicture* ImageMethodB() const { return m_imageMethodB; }

    void FormShow();
    void ImageMethodAClick();
    void ImageMethodBClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMethodPicture* m_imageMethodA = nullptr;
    TMethodPicture* m_imageMethodB = nullptr;
    TGenerationMethod m_method = TGenerationMethod::None;
};
