// tolvanectl: the sensor from the command line, on the backend of this
// platform or, with --sim, on virtual sensors.

#include "HostPlatform.h"
#include "Tolvanectl.h"

int main(int argc, char** argv)
{
    return cli::RunTolvanectl(argc, argv, MakeHostPlatform);
}
