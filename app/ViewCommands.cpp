#include "ViewCommands.h"

#include "app/resources/resource.h"
#include "view/CTessaronView.h"

namespace {

constexpr SViewCommand kViewCommands[] = {
    {ID_AUTO_ROTATE, &CTessaronView::OnAutoRotate, &CTessaronView::OnUpdateAutoRotate},
    {ID_WALK_AROUND, &CTessaronView::OnWalkAround, &CTessaronView::OnUpdateWalkAround},
    {ID_WHITE_BACKGROUND, &CTessaronView::OnWhiteBackground, &CTessaronView::OnUpdateWhiteBackground},
    {ID_SHOW_NET, &CTessaronView::OnShowNet, &CTessaronView::OnUpdateShowNet},
    {ID_ZOOM_IN, &CTessaronView::OnZoomIn, nullptr},
    {ID_ZOOM_OUT, &CTessaronView::OnZoomOut, nullptr},
    {ID_HOME, &CTessaronView::OnHome, nullptr},
    {ID_VIEW_FULL_SHADING, &CTessaronView::OnFullShading, &CTessaronView::OnUpdateFullShading},
};

} // namespace

std::span<const SViewCommand> ViewCommands()
{
    return kViewCommands;
}

const SViewCommand* FindViewCommand(unsigned nID)
{
    for (const SViewCommand& command : kViewCommands)
        if (command.nID == nID)
            return &command;
    return nullptr;
}
