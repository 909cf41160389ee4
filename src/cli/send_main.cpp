// lettrica-send: the mail command of lettrica-cli, which runs this program
// for it (send_program.cpp); run by hand, it is `lettrica-cli send`.

#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
    lettrica::cli::Command send = *lettrica::cli::findCommand("send");
    send.run = lettrica::cli::runSend;
    return lettrica::cli::runCommand(send, std::vector<std::string>(argv + 1, argv + argc));
}
