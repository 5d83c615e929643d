/* The smallest Windows program worth signing: the tagging tests sign, tag and check it. */
int main(void) {
    return 7;
}
