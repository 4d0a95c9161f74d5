#include "app/application.h"

int main(int argc, char* argv[])
{
    korvo::Application application(argc, argv);
    // A profile that cannot be used, and the learner chose to quit: it is left untouched.
    if (!application.initialize())
        return 1;
    return application.exec();
}
