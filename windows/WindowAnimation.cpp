// Window animations; placeholder bodies until the animations' own file
// replaces them.
#include "windows/Window.h"

bool IQRKWnd::StartMoveAnimation(int32_t, int32_t, int32_t, int32_t) { return false; }
bool IQRKWnd::StartMoveResizeAnimation(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return false; }
bool IQRKWnd::FinishMoveAnimation() { return true; }
void IQRKWnd::ClearMoveAnimation() { m_moveAnimation = {}; }
bool IQRKWnd::StartOpacityAnimation(int32_t, int32_t, int32_t) { return false; }
bool IQRKWnd::FinishOpacityAnimation() { return true; }
void IQRKWnd::ClearOpacityAnimation() { m_opacityAnimation = {}; }
bool IQRKWnd::StartColorAnimation(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return false; }
bool IQRKWnd::FinishColorAnimation() { return true; }
void IQRKWnd::ClearColorAnimation() { m_colorAnimation = {}; }
void IQRKWnd::StepAnimations() {}
