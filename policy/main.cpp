// qlmpolicy: the deployment policy client. The run itself arrives with the policy layer; until
// then the program starts and ends successfully.
int main(int /*argc*/, char** /*argv*/) { return 0; }
