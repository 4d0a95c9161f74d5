#include "style/applicationservices.h"

namespace korvo {

namespace {

ApplicationServices* registeredServices = nullptr;

} // namespace

ApplicationServices* ApplicationServices::instance()
{
    return registeredServices;
}

void ApplicationServices::setInstance(ApplicationServices* services)
{
    registeredServices = services;
}

} // namespace korvo
