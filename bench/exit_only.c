// The floor of a whole run: a statically linked process that only exits.
int main(void) {
  return 0;
}
