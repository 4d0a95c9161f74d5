#include "app/application.h"

int main(int argc, char* argv[])
{
    korvo::Application application(argc, argv);
    application.initialize();
    return application.exec();
}
